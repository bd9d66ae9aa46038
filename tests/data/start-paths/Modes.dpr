program Modes;

uses
  Forms,
  SysUtils,
  FormA in 'FormA.pas' {frmA},
  FormB in 'FormB.pas' {frmB},
  FormC in 'FormC.pas' {frmC},
  Shared in 'Shared.pas' {dmShared: TDataModule};

{$R *.RES}

begin
  Application.Initialize;
  Application.Title := 'Modes';
  Application.CreateForm(TdmShared, dmShared);
  if ParamStr(1) = '/A' then begin
    Application.CreateForm(TfrmA, frmA);
  end
  else if ParamStr(1) = '/B' then begin
    Application.CreateForm(TfrmB, frmB);
  end
  else
    Application.CreateForm(TfrmC, frmC);
  Application.Run;
end.
