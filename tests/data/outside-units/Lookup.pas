unit Lookup;

interface

uses
  DB, DBTables;

function OpenLookup(const Name: string): TTable;

implementation

function OpenLookup(const Name: string): TTable;
begin
  Result := TTable.Create(nil);
  Result.TableName := Name;
  Result.Open;
end;

end.
