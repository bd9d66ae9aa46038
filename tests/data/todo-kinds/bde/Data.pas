unit Data;
interface
uses SysUtils, Classes, DB, DBTables, BDE;
type
  TdmData = class(TDataModule)
    dbMain: TDatabase;
    qryList: TQuery;
    tblItems: TTable;
  end;
implementation
{$R *.dfm}
procedure Refresh(dm: TdmData);
begin
  { qryList.DatabaseName Session DBIUseIdleTime on E: EDBEngineError do }
  // tblItems.DefaultIndex := False; DBIERR_KEYVIOL
  dm.qryList.DatabaseName := 'X';
  Session.Close;
  DBIUseIdleTime;
  dm.tblItems.DefaultIndex := False;
  dm.tblItems.FieldDefs.Update;
  try
    dm.tblItems.Post;
  except
    on E: EDBEngineError do
      if E.Errors[0].NativeError = DBIERR_KEYVIOL then
        ShowMessage('on E: EDBEngineError do E.Errors[0] Session DbiInit');
  end;
end;
procedure Open(dm: TdmData; const Path: string);
begin
  dm.tblItems.TableName := Path + 'items.db';
  dm.tblItems.TableName := 'ITEMS';
  with dm.tblItems do TableName := ChangeFileExt(Path, '.DBF');
  ShowMessage('TableName := ''x.DB''');
end;
end.
