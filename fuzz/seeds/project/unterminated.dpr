program Q;
uses A in 'a.pas'
in 'x.pas', B in 'never closed