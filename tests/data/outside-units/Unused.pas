unit Unused;

interface

uses
  DBTables;

var
  Spare: TQuery;

implementation

end.
