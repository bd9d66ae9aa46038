program P;
uses Data in 'Data.pas';
begin
end.
