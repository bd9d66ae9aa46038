unit Data;

interface

uses
  SysUtils, Classes, DB, DBTables;

type
  TdmData = class(TDataModule)
    dbShop: TDatabase;
    qryItems: TQuery;
    tblCustomer: TTable;
  end;

var
  dmData: TdmData;

implementation

{$R *.DFM}

end.
