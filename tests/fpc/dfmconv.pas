{ Converts form files between the binary object stream and form text with
  Free Pascal's Classes unit. Used by the tests as an independent oracle.

    dfmconv totext IN OUT   binary form (with or without resource wrapper) to text
    dfmconv tobin IN OUT    form text to binary form with the resource wrapper
    dfmconv rawbin IN OUT   form text to a bare object stream }
program dfmconv;

{$mode objfpc}{$H+}

uses Classes, SysUtils;

procedure SkipWrapper(S: TStream);
var
  B: Byte;
  W: Word;
  Size: LongWord;
begin
  S.Position := 0;
  if (S.Size < 3) then Exit;
  S.ReadBuffer(B, 1);
  if B <> $FF then begin S.Position := 0; Exit; end;
  S.ReadBuffer(W, 2);
  repeat S.ReadBuffer(B, 1) until B = 0;
  S.ReadBuffer(W, 2);
  S.ReadBuffer(Size, 4);
end;

function RootClassName(S: TStream): string;
var
  Sig: array[0..3] of Char;
  Len: Byte;
  Flags: Byte;
begin
  S.Position := 0;
  S.ReadBuffer(Sig, 4);
  S.ReadBuffer(Len, 1);
  if (Len and $F0) = $F0 then
  begin
    Flags := Len;
    if (Flags and 2) <> 0 then S.ReadBuffer(Len, 1); { child position: skip value type }
    S.ReadBuffer(Len, 1);
  end;
  SetLength(Result, Len);
  if Len > 0 then S.ReadBuffer(Result[1], Len);
end;

var
  InS, OutS: TFileStream;
  Mem: TMemoryStream;
  Name: string;
  B: Byte;
  W: Word;
  Size: LongWord;
begin
  if ParamCount < 3 then
  begin
    WriteLn(StdErr, 'usage: dfmconv totext|tobin|rawbin IN OUT');
    Halt(2);
  end;
  try
    InS := TFileStream.Create(ParamStr(2), fmOpenRead);
    OutS := TFileStream.Create(ParamStr(3), fmCreate);
    try
      if ParamStr(1) = 'totext' then
      begin
        SkipWrapper(InS);
        ObjectBinaryToText(InS, OutS);
      end
      else
      begin
        Mem := TMemoryStream.Create;
        try
          ObjectTextToBinary(InS, Mem);
          if ParamStr(1) = 'tobin' then
          begin
            Name := UpperCase(RootClassName(Mem));
            B := $FF; OutS.WriteBuffer(B, 1);
            W := 10; OutS.WriteBuffer(W, 2);
            if Length(Name) > 0 then OutS.WriteBuffer(Name[1], Length(Name));
            B := 0; OutS.WriteBuffer(B, 1);
            W := $1030; OutS.WriteBuffer(W, 2);
            Size := Mem.Size; OutS.WriteBuffer(Size, 4);
          end;
          Mem.Position := 0;
          OutS.CopyFrom(Mem, Mem.Size);
        finally
          Mem.Free;
        end;
      end;
    finally
      InS.Free;
      OutS.Free;
    end;
  except
    on E: Exception do
    begin
      WriteLn(StdErr, 'dfmconv: ', E.Message);
      Halt(1);
    end;
  end;
end.
