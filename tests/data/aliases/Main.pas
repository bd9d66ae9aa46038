unit Main;

interface

uses
  Windows, Classes, Forms, DB, DBTables;

type
  TfrmMain = class(TForm)
    tblCustomers: TTable;
    qryOrders: TQuery;
    qryArchive: TQuery;
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.DFM}

end.
