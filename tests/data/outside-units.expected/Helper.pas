unit Helper;

interface

uses
  SysUtils, Classes, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache, Lookup;

type
  TdmHelper = class(TDataModule)
    qryOrders: TNXQuery;
  end;

var
  dmHelper: TdmHelper;

implementation

{$R *.DFM}

end.
