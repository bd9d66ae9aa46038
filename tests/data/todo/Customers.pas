unit Customers;

interface

uses
  SysUtils, Classes, Dialogs, DB, DBTables, BDE;

type
  TdmCustomers = class(TDataModule)
    dbMain: TDatabase;
    qryOrders: TQuery;
    tblCustomers: TTable;
    procedure Prepare(Sender: TObject);
  private
    FSession: TSession;
    FSource: TBDEDataSet;
  end;

  TSettings = class
    DatabaseName: string;
  end;

implementation

{$R *.dfm}

{ qryOrders.DatabaseName is set by Session; DbiSaveChanges(tblCustomers.Handle) }
procedure TdmCustomers.Prepare(Sender: TObject);
var
  Settings: TSettings;
  User: string;
begin
  // with qryOrders do DatabaseName := Session.NetFileDir;
  qryOrders.DatabaseName := Settings.DatabaseName;
  Session.AddStandardAlias('ORDERS', 'C:\Data', 'PARADOX');
  Check(DbiSaveChanges(tblCustomers.Handle));
  with qryOrders do DatabaseName := 'ORDERS';
  with tblCustomers do
  begin
    TableType := ttParadox;
    Exclusive := True;
    Open;
  end;
  User := dbMain.Params.Values['USER NAME'];
  TQuery(Sender).RequestLive := True;
  ShowMessage('Session.AddStandardAlias failed: DatabaseName, DbiSaveChanges, TSession');
  tblCustomers.TableName := 'CUSTOMER';
end;

end.
