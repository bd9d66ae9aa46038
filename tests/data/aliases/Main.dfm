object frmMain: TfrmMain
  Left = 100
  Top = 100
  Caption = 'Ledger'
  ClientHeight = 300
  ClientWidth = 400
  object tblCustomers: TTable
    DatabaseName = 'LEDGER'
    TableName = 'CUSTOMERS'
    Left = 16
    Top = 16
  end
  object qryOrders: TQuery
    DatabaseName = 'ledger'
    SQL.Strings = (
      'select * from ORDERS')
    Left = 48
    Top = 16
  end
  object qryArchive: TQuery
    DatabaseName = 'Old Archive'
    SQL.Strings = (
      'select * from ORDERS_1999')
    Left = 80
    Top = 16
  end
end
