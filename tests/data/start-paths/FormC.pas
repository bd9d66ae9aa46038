unit FormC;

interface

uses
  Windows, Classes, Forms, DB, DBTables, Shared;

type
  TfrmC = class(TForm)
    tblPlain: TTable;
  end;

var
  frmC: TfrmC;

implementation

{$R *.DFM}

end.
