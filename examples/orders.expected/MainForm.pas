unit MainForm;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  Grids, DBGrids, Db, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache, StdCtrls;

type
  TfrmMain = class(TForm)
    grdOrders: TDBGrid;
    btnRefresh: TButton;
    qryTotals: TNXQuery;
    dsTotals: TDataSource;
    procedure btnRefreshClick(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

uses DataModule;

{$R *.DFM}

procedure TfrmMain.btnRefreshClick(Sender: TObject);
begin
  (* Reopen the TNXQuery so the grid shows new rows *)
  qryTotals.Close;
  qryTotals.Open;
end;

end.
