unit Utils;

interface

function FormatOrderNo(No: Integer): string;

implementation

uses SysUtils;

function FormatOrderNo(No: Integer): string;
begin
  Result := Format('ORD-%.6d', [No]);
end;

end.
