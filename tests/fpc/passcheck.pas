{ Reads each Pascal file named on the command line with Free Pascal's own
  source parser (fcl-passrc) and prints one line per file: "ok <file>", or
  "fail <file>: <message>". The tests use it as an independent parser of
  the units and project files the tool writes. }
program passcheck;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, PasTree, PParser;

type
  TCheckEngine = class(TPasTreeContainer)
  public
    function CreateElement(AClass: TPTreeElement; const AName: String;
      AParent: TPasElement; AVisibility: TPasMemberVisibility;
      const ASourceFilename: String; ASourceLinenumber: Integer): TPasElement; override;
    function FindElement(const AName: String): TPasElement; override;
  end;

function TCheckEngine.CreateElement(AClass: TPTreeElement; const AName: String;
  AParent: TPasElement; AVisibility: TPasMemberVisibility;
  const ASourceFilename: String; ASourceLinenumber: Integer): TPasElement;
begin
  Result := AClass.Create(AName, AParent);
  Result.Visibility := AVisibility;
  Result.SourceFilename := ASourceFilename;
  Result.SourceLinenumber := ASourceLinenumber;
end;

function TCheckEngine.FindElement(const AName: String): TPasElement;
begin
  Result := nil;
end;

var
  I: Integer;
  Engine: TCheckEngine;
  Module: TPasModule;
begin
  for I := 1 to ParamCount do
  begin
    Engine := TCheckEngine.Create;
    try
      try
        Module := ParseSource(Engine, ParamStr(I), 'win32', 'i386', [poUseStreams]);
        Module.Free;
        WriteLn('ok ', ParamStr(I));
      except
        on E: Exception do
          WriteLn('fail ', ParamStr(I), ': ', StringReplace(E.Message, LineEnding, ' ',
            [rfReplaceAll]));
      end;
    finally
      Engine.Free;
    end;
  end;
end.
