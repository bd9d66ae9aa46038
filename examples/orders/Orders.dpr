program Orders;

uses
  Forms,
  MainForm in 'MainForm.pas' {frmMain},
  DataModule in 'DataModule.pas' {dmOrders: TDataModule},
  Reports in 'Reports.pas' {frmReports},
  Utils in 'Utils.pas';

{$R *.RES}

begin
  Application.Initialize;
  Application.Title := 'Orders';
  Application.CreateForm(TdmOrders, dmOrders);
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
