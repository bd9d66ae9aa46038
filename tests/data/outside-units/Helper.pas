unit Helper;

interface

uses
  SysUtils, Classes, DB, DBTables, Lookup;

type
  TdmHelper = class(TDataModule)
    qryOrders: TQuery;
  end;

var
  dmHelper: TdmHelper;

implementation

{$R *.DFM}

end.
