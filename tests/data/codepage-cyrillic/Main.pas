unit Main;

{ Окно клиентов: просмотр и правка }

interface

uses
  SysUtils, Classes, Forms, Dialogs, DB, DBTables;

type
  TfrmMain = class(TForm)
    qryClients: TQuery;
    procedure FormShow(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.DFM}

procedure TfrmMain.FormShow(Sender: TObject);
var
  Q: TQuery; // Окно клиентов: просмотр и правка
begin
  Q := TQuery.Create(nil);
  try
    Q.DatabaseName := 'Склад';
    MessageDlg('Не удалось открыть таблицу клиентов', mtInformation, [mbOK], 0);
  finally
    Q.Free;
  end;
end;

end.
