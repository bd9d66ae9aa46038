unit Child;

interface

uses
  Classes, Forms, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TfrmChild = class(TForm)
    dbChild: TNXConnection;
    qryChild: TNXQuery;
    tblItems: TNXTable;
  end;

implementation

uses Data;

{$R *.DFM}

end.
