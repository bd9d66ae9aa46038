unit Data;

interface

uses
  SysUtils, Classes, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TdmData = class(TDataModule)
    dbShop: TNXConnection;
    qryItems: TNXQuery;
    tblCustomer: TNXTable;
  end;

var
  dmData: TdmData;

implementation

{$R *.DFM}

end.
