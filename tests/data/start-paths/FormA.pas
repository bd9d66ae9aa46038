unit FormA;

interface

uses
  Windows, Classes, Forms, DB, DBTables, RxQuery;

type
  TfrmA = class(TForm)
    qrySales: TQuery;
    rxSales: TRxQuery;
    procedure FormShow(Sender: TObject);
  end;

var
  frmA: TfrmA;

implementation

uses Utils;

{$R *.DFM}

procedure TfrmA.FormShow(Sender: TObject);
begin
  qrySales.Open;
  rxSales.Open;
end;

end.
