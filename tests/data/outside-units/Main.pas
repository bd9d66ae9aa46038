unit Main;

interface

uses
  Classes, Forms, Controls, Plain, Helper;

type
  TfrmMain = class(TForm)
    procedure FormShow(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.DFM}

procedure TfrmMain.FormShow(Sender: TObject);
begin
  Caption := Plain.Title;
  dmHelper.qryOrders.Open;
end;

end.
