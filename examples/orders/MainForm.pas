unit MainForm;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  Grids, DBGrids, Db, DBTables, StdCtrls;

type
  TfrmMain = class(TForm)
    grdOrders: TDBGrid;
    btnRefresh: TButton;
    qryTotals: TQuery;
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
  (* Reopen the TQuery so the grid shows new rows *)
  qryTotals.Close;
  qryTotals.Open;
end;

end.
