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
  Dump: TStringList;
  D: TAbstractObjectReader;

procedure Emit(const S: string);
begin
  Dump.Add(S);
end;

function Codes(const S: UnicodeString): string;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to Length(S) do
    Result := Result + ' ' + IntToStr(Ord(S[I]));
end;

function ByteCodes(const S: RawByteString): string;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to Length(S) do
    Result := Result + ' ' + IntToStr(Ord(S[I]));
end;

procedure DumpValue; forward;

procedure DumpProperties;
begin
  while D.NextValue <> vaNull do
  begin
    Emit('PROP ' + D.BeginProperty);
    DumpValue;
  end;
  D.ReadValue;
end;

function ReadInt(T: TValueType): Int64;
begin
  case T of
    vaInt8: Result := D.ReadInt8;
    vaInt16: Result := D.ReadInt16;
    vaInt32: Result := D.ReadInt32;
  else
    Result := D.ReadInt64;
  end;
end;

procedure DumpValue;
var
  T: TValueType;
  Data: TMemoryStream;
  I: Integer;
  S, Item: string;
  U8: RawByteString;
begin
  T := D.ReadValue;
  case T of
    vaNull: Emit('NULL');
    vaList:
      begin
        Emit('LIST');
        while D.NextValue <> vaNull do DumpValue;
        D.ReadValue;
        Emit('ENDLIST');
      end;
    vaInt8, vaInt16, vaInt32, vaInt64: Emit('NUM ' + IntToStr(ReadInt(T)));
    vaExtended: Emit('NUM ' + FloatToStrF(D.ReadFloat, ffGeneral, 12, 0));
    vaSingle: Emit('NUM ' + FloatToStrF(D.ReadSingle, ffGeneral, 7, 0));
    vaCurrency: Emit('NUM ' + FloatToStrF(D.ReadCurrency, ffGeneral, 12, 0));
    vaDate: Emit('NUM ' + FloatToStrF(D.ReadDate, ffGeneral, 12, 0));
    vaString, vaLString: Emit('STR' + ByteCodes(D.ReadString(T)));
    vaWString: Emit('STR' + Codes(D.ReadWideString));
    vaUTF8String:
      begin
        U8 := '';
        SetLength(U8, D.ReadInt32);
        if Length(U8) > 0 then TBinaryObjectReader(D).Read(U8[1], Length(U8));
        Emit('STR' + Codes(UTF8Decode(U8)));
      end;
    vaIdent: Emit('IDENT ' + D.ReadIdent(T));
    vaFalse: Emit('BOOL False');
    vaTrue: Emit('BOOL True');
    vaNil: Emit('NIL');
    vaBinary:
      begin
        Data := TMemoryStream.Create;
        try
          D.ReadBinary(Data);
          S := '';
          for I := 0 to Data.Size - 1 do S := S + IntToHex(PByte(Data.Memory)[I], 2);
          Emit('BIN ' + S);
        finally
          Data.Free;
        end;
      end;
    vaSet:
      begin
        S := 'SET';
        repeat
          Item := D.ReadStr;
          if Item <> '' then S := S + ' ' + Item;
        until Item = '';
        Emit(S);
      end;
    vaCollection:
      begin
        Emit('COLL');
        while D.NextValue <> vaNull do
        begin
          if D.NextValue in [vaInt8, vaInt16, vaInt32] then
          begin
            T := D.ReadValue;
            Emit('ITEM ' + IntToStr(ReadInt(T)));
          end
          else
            Emit('ITEM');
          D.ReadValue;  { the item's list }
          DumpProperties;
          Emit('ENDITEM');
        end;
        D.ReadValue;
        Emit('ENDCOLL');
      end;
  else
    raise Exception.Create('unknown value type ' + IntToStr(Ord(T)));
  end;
end;

procedure DumpObject;
var
  Flags: TFilerFlags;
  ChildPos: Integer;
  ClassName, ObjectName: string;
begin
  ChildPos := 0;
  D.BeginComponent(Flags, ChildPos, ClassName, ObjectName);
  Emit('OBJ inherited=' + BoolToStr(ffInherited in Flags, True) + ' inline=' +
    BoolToStr(ffInline in Flags, True) + ' pos=' + IntToStr(ChildPos) + ' ' + ObjectName + ': ' + ClassName);
  DumpProperties;
  while D.NextValue <> vaNull do DumpObject;
  D.ReadValue;
  Emit('ENDOBJ');
end;

procedure Bench(const ListFile, UsedFile: string; Rounds: Integer);
var
  Files: TStringList;
  Bins, Texts: array of TMemoryStream;
  F: TFileStream;
  Outp, Bin, Txt: TMemoryStream;
  Used: TStringList;
  I, R, N: Integer;
  Total: Int64;
  Start: QWord;
  T1, T2: Double;
begin
  Files := TStringList.Create;
  Files.LoadFromFile(ListFile);
  Used := TStringList.Create;
  Total := 0;
  for I := 0 to Files.Count - 1 do
  begin
    F := TFileStream.Create(Files[I], fmOpenRead);
    SkipWrapper(F);
    Bin := TMemoryStream.Create;
    Bin.CopyFrom(F, F.Size - F.Position);
    F.Free;
    Txt := TMemoryStream.Create;
    try
      Bin.Position := 0;
      ObjectBinaryToText(Bin, Txt);
    except
      { value types Free Pascal does not convert: left out of the comparison }
      Bin.Free;
      Txt.Free;
      Continue;
    end;
    N := Length(Bins);
    SetLength(Bins, N + 1);
    SetLength(Texts, N + 1);
    Bins[N] := Bin;
    Texts[N] := Txt;
    Inc(Total, Bin.Size);
    Used.Add(Files[I]);
  end;
  Used.SaveToFile(UsedFile);
  Outp := TMemoryStream.Create;
  Start := GetTickCount64;
  for R := 1 to Rounds do
    for I := 0 to High(Bins) do
    begin
      Bins[I].Position := 0;
      Outp.Clear;
      ObjectBinaryToText(Bins[I], Outp);
    end;
  T1 := (GetTickCount64 - Start) / 1000.0;
  Start := GetTickCount64;
  for R := 1 to Rounds do
    for I := 0 to High(Texts) do
    begin
      Texts[I].Position := 0;
      Outp.Clear;
      ObjectTextToBinary(Texts[I], Outp);
    end;
  T2 := (GetTickCount64 - Start) / 1000.0;
  WriteLn(Format('fpc binary->text %.1f MB/s', [Total * Rounds / 1048576.0 / T1]));
  WriteLn(Format('fpc text->binary %.1f MB/s', [Total * Rounds / 1048576.0 / T2]));
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
  if ParamStr(1) = 'bench' then
  begin
    Bench(ParamStr(2), ParamStr(3), StrToInt(ParamStr(4)));
    Halt(0);
  end;
  try
    InS := TFileStream.Create(ParamStr(2), fmOpenRead);
    OutS := TFileStream.Create(ParamStr(3), fmCreate);
    try
      if ParamStr(1) = 'dump' then
      begin
        SkipWrapper(InS);
        Dump := TStringList.Create;
        D := TBinaryObjectReader.Create(InS, 4096);
        try
          D.BeginRootComponent;
          DumpObject;
          Dump.SaveToStream(OutS);
        finally
          D.Free;
          Dump.Free;
        end;
      end
      else if ParamStr(1) = 'totext' then
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
