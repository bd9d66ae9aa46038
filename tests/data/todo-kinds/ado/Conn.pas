unit Conn;
interface
uses Classes, DB, ADODB, ComObj;
type
  TdmConn = class(TDataModule)
    cnMain: TADOConnection;
    qryOrders: TADOQuery;
  end;
implementation
{$R *.dfm}
procedure Save(dm: TdmConn);
begin
  dm.cnMain.BeginTrans; // dm.cnMain.CommitTrans
  try
    dm.qryOrders.Parameters.ParamByName('ID').Value := 1;
    dm.qryOrders.ExecSQL;
    dm.cnMain.CommitTrans;
  except
    on E: EOleException do
    begin
      dm.cnMain.RollbackTrans;
      raise Exception.Create('on E: EOleException do');
    end;
  end;
end;
end.
