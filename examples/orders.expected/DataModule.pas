unit DataModule;

{ Data access for the order entry screens. Every TNXQuery and TNXTable of the
  application lives here, connected through one TNXConnection. }

interface

uses
  SysUtils, Classes, DB, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache;

type
  TdmOrders = class(TDataModule)
    dbOrders: TNXConnection;
    qryOrders: TNXQuery;
    qryOrdersOrderNo: TIntegerField;
    qryOrdersCustomer: TStringField;
    tblCustomers: TNXTable;
    spNextOrderNo: TNXStoredProc;
    updOrders: TNXUpdateSQL;
    dsOrders: TDataSource;
    procedure DataModuleCreate(Sender: TObject);
  private
    FLastError: string;
  public
    function NextOrderNo: Integer;
    function OpenOrders(const Customer: string): Boolean;
  end;

var
  dmOrders: TdmOrders;

implementation

{$R *.DFM}

procedure TdmOrders.DataModuleCreate(Sender: TObject);
begin
  dbOrders.Connected := True;
end;

function TdmOrders.NextOrderNo: Integer;
begin
  spNextOrderNo.ExecProc;
  Result := spNextOrderNo.ParamByName('Result').AsInteger;
end;

function TdmOrders.OpenOrders(const Customer: string): Boolean;
var
  Q: TNXQuery;
begin
  Q := TNXQuery.Create(nil); // a scratch TNXQuery, freed below
  try
    Q.DatabaseName := dbOrders.DatabaseName;
    Q.SQL.Text := 'select count(*) from ORDERS where CUSTOMER = :C';
    Q.ParamByName('C').AsString := Customer;
    try
      Q.Open;
      Result := Q.Fields[0].AsInteger > 0;
    except
      on E: ENXOleError do
      begin
        FLastError := 'TQuery failed: ' + E.Message;
        Result := False;
      end;
    end;
  finally
    Q.Free;
  end;
end;

end.
