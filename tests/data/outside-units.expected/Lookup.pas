unit Lookup;

interface

uses
  DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

function OpenLookup(const Name: string): TNXTable;

implementation

function OpenLookup(const Name: string): TNXTable;
begin
  Result := TNXTable.Create(nil);
  Result.TableName := Name;
  Result.Open;
end;

end.
