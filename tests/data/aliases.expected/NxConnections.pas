unit NxConnections;

interface

uses
  SysUtils, Classes, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TdmNxConnections = class(TDataModule)
    conLEDGER: TNXConnection;
    conOld_Archive: TNXConnection;
  private
    { Private declarations }
  public
    { Public declarations }
  end;

var
  dmNxConnections: TdmNxConnections;

implementation

{$R *.dfm}

end.
