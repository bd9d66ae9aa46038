object frmA: TfrmA
  Caption = 'Sales'
  OnShow = FormShow
  object qrySales: TQuery
    DatabaseName = 'SALES'
    SQL.Strings = (
      'select * from SALES')
    Left = 16
    Top = 16
  end
  object rxSales: TRxQuery
    DatabaseName = 'SALES'
    SessionName = 'Default'
    Left = 48
    Top = 16
  end
end
