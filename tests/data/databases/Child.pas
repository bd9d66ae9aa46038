unit Child;

interface

uses
  Classes, Forms, DB, DBTables;

type
  TfrmChild = class(TForm)
    dbChild: TDatabase;
    qryChild: TQuery;
    tblItems: TTable;
  end;

implementation

{$R *.DFM}

end.
