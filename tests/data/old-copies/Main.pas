unit Main;

interface

uses
  Classes, Forms, DB, DBTables;

type
  TfrmMain = class(TForm)
    qryBooks: TQuery;
    qryLoans: TQuery;
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.DFM}

end.
