unit Main;

interface

uses
  Windows, Classes, Forms, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache, Child;

type
  TfrmMain = class(TForm)
    dbLocal: TNXConnection;
    tblLocal: TNXTable;
    qryTotals: TNXQuery;
    procedure FormShow(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

uses Data;

{$R *.DFM}

procedure TfrmMain.FormShow(Sender: TObject);
begin
  // Two windows of one form, each with its own database.
  TfrmChild.Create(Self).Show;
  TfrmChild.Create(Self).Show;
end;

end.
