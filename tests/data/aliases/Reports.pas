unit Reports;

interface

uses
  Windows, Classes, Forms, DB, DBTables;

type
  TfrmReports = class(TForm)
    dbRemote: TDatabase;
    qryTotals: TQuery;
    qryReport: TQuery;
    qryMisc: TQuery;
    qryScratch: TQuery;
  end;

var
  frmReports: TfrmReports;

implementation

{$R *.DFM}

end.
