program P;
uses Conn in 'Conn.pas', List in 'List.pas', Orders in 'Orders.pas';
begin
end.
