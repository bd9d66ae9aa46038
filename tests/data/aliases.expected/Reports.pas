unit Reports;

interface

uses
  Windows, Classes, Forms, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TfrmReports = class(TForm)
    dbRemote: TNXConnection;
    qryTotals: TNXQuery;
    qryReport: TNXQuery;
    qryMisc: TNXQuery;
    qryScratch: TNXQuery;
  end;

var
  frmReports: TfrmReports;

implementation

uses NxConnections;

{$R *.DFM}

end.
