program Shop;

uses
  Forms,
  DBTables,
  Main in 'Main.pas' {frmMain},
  Data in 'Data.pas' {dmData: TDataModule},
  Child in 'Child.pas' {frmChild};

{$R *.RES}

begin
  Session.AddPassword('secret');
  Application.Initialize;
  Application.CreateForm(TdmData, dmData);
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
