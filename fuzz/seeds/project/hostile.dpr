program P;
uses
  A in 'a.pas' {Form1},
  B in 'sub\b.pas' (* c *),
  C in '..\..\c''s.pas',
  D in '' , E in 'e.pas' { unterminated comment
