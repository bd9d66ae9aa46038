unit Base;
interface
uses Forms, DB, DBTables;
type
  TfrmBase = class(TForm)
    tblBase: TTable;
    lkBase: TMyLookup;
  end;
implementation
{$R *.dfm}
end.
