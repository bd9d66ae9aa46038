unit FormB;

interface

uses
  Windows, Classes, Forms, DB, DBTables,
  DBIProcs;

type
  TfrmB = class(TForm)
    tblArchive: TTable;
    procedure FormClose(Sender: TObject);
  end;

var
  frmB: TfrmB;

implementation

{$R *.DFM}

procedure TfrmB.FormClose(Sender: TObject);
begin
  DbiSaveChanges(tblArchive.Handle);
end;

end.
