program Ledger;

uses
  Forms,
  Main in 'Main.pas' {frmMain},
  Reports in 'Reports.pas' {frmReports};

{$R *.RES}

begin
  Application.Initialize;
  Application.CreateForm(TfrmMain, frmMain);
  Application.CreateForm(TfrmReports, frmReports);
  Application.Run;
end.
