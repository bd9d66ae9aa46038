unit Orders;
interface
uses List;
type
  TfrmOrders = class(TfrmList)
    procedure Load;
  end;
implementation
procedure TfrmOrders.Load;
begin
  qryList.Close; { qryList.Parameters }
  qryList.Parameters.Clear;
end;
end.
