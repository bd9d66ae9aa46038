unit Main;

interface

uses
  Windows, Classes, Forms, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TfrmMain = class(TForm)
    tblCustomers: TNXTable;
    qryOrders: TNXQuery;
    qryArchive: TNXQuery;
  end;

var
  frmMain: TfrmMain;

implementation

uses NxConnections;

{$R *.DFM}

end.
