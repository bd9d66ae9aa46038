unit Main;

{ Janela de clientes: visualização e edição }

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
  Q: TQuery; // Janela de clientes: visualização e edição
begin
  Q := TQuery.Create(nil);
  try
    Q.DatabaseName := 'Armazém';
    MessageDlg('Não foi possível abrir a tabela de clientes', mtInformation, [mbOK], 0);
  finally
    Q.Free;
  end;
end;

end.
