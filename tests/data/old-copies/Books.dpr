program Books;

uses
  Forms,
  Main in 'Main.pas' {frmMain},
  Data in 'Data.pas' {dmData: TDataModule};

begin
  Application.Initialize;
  Application.CreateForm(TdmData, dmData);
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
