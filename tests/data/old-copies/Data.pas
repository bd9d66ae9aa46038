unit Data;

interface

uses
  Classes, DB, DBTables;

type
  TdmData = class(TDataModule)
    dbBooks: TDatabase;
  end;

var
  dmData: TdmData;

implementation

{$R *.DFM}

end.
