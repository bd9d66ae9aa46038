object frmMain: TfrmMain
  Left = 200
  Top = 120
  Caption = 'Клиенты и заказы'
  OnShow = FormShow
  object qryClients: TQuery
    DatabaseName = 'Склад'
    RequestLive = True
    SQL.Strings = (
      'select * from CLIENTS')
    Left = 16
    Top = 16
  end
end
