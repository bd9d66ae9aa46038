unit Reports;

// Отчёты по заказам: the report form keeps its Cyrillic captions, 注文 too.

interface

uses
  SysUtils, Classes, Forms, DB, DBTables;

type
  TfrmReports = class(TForm)
    tblSummary: TTable;
  public
    procedure Prepare;
  end;

var
  frmReports: TfrmReports;

implementation

{$R *.dfm}

procedure TfrmReports.Prepare;
begin
  tblSummary.TableName := 'Итоги';  { TTable over the summary table }
end;

end.
