program P;
uses Data in 'Data.pas', Base in 'Base.pas', Child in 'Child.pas';
begin
end.
