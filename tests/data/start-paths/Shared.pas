unit Shared;

interface

uses
  SysUtils, Classes, DB, DBTables;

type
  TdmShared = class(TDataModule)
    dbArchive: TDatabase;
    procedure DataModuleCreate(Sender: TObject);
  end;

var
  dmShared: TdmShared;

implementation

{$R *.DFM}

procedure TdmShared.DataModuleCreate(Sender: TObject);
begin
  Session.NetFileDir := ExtractFilePath(ParamStr(0));
end;

end.
