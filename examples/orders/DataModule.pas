unit DataModule;

{ Data access for the order entry screens. Every TQuery and TTable of the
  application lives here, connected through one TDatabase. }

interface

uses
  SysUtils, Classes, DB, DBTables;

type
  TdmOrders = class(TDataModule)
    dbOrders: TDatabase;
    qryOrders: TQuery;
    qryOrdersOrderNo: TIntegerField;
    qryOrdersCustomer: TStringField;
    tblCustomers: TTable;
    spNextOrderNo: TStoredProc;
    updOrders: TUpdateSQL;
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
  Q: TQuery;
begin
  Q := TQuery.Create(nil); // a scratch tquery, freed below
  try
    Q.DatabaseName := dbOrders.DatabaseName;
    Q.SQL.Text := 'select count(*) from ORDERS where CUSTOMER = :C';
    Q.ParamByName('C').AsString := Customer;
    try
      Q.Open;
      Result := Q.Fields[0].AsInteger > 0;
    except
      on E: EDBEngineError do
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
