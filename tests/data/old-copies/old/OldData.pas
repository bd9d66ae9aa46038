unit OldData;

interface

uses
  Classes, DB, DBTables;

type
  TdmOldData = class(TDataModule)
    dbBooksOld: TDatabase;
    dbLoans: TDatabase;
  end;

var
  dmOldData: TdmOldData;

implementation

{$R *.DFM}

end.
