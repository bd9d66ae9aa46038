unit Reports;

// Отчёты по заказам: the report form keeps its Cyrillic captions, 注文 too.

interface

uses
  SysUtils, Classes, Forms, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TfrmReports = class(TForm)
    tblSummary: TNXTable;
  public
    procedure Prepare;
  end;

var
  frmReports: TfrmReports;

implementation

uses DataModule;

{$R *.dfm}

procedure TfrmReports.Prepare;
begin
  tblSummary.TableName := 'Итоги';  { TNXTable over the summary table }
end;

end.
