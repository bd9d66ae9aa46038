object frmMain: TfrmMain
  Left = 200
  Top = 120
  Caption = 'Clientes e encomendas — Ação'
  OnShow = FormShow
  object qryClients: TQuery
    DatabaseName = 'Armazém'
    RequestLive = True
    SQL.Strings = (
      'select * from CLIENTS')
    Left = 16
    Top = 16
  end
end
