program Ledger;

uses
  Forms,
  Main in 'Main.pas' {frmMain},
  Reports in 'Reports.pas' {frmReports},
  NxConnections in 'NxConnections.pas' {dmNxConnections: TDataModule};

{$R *.RES}

begin
  Application.Initialize;
  Application.CreateForm(TdmNxConnections, dmNxConnections);
  Application.CreateForm(TfrmMain, frmMain);
  Application.CreateForm(TfrmReports, frmReports);
  Application.Run;
end.
