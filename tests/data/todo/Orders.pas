unit Orders;

interface

implementation

uses Customers;

procedure Reopen;
begin
  dmCustomers.tblCustomers.Close;
  dmCustomers.tblCustomers.Exclusive := False;
  dmCustomers.tblCustomers.Open;
end;

end.
