object dmData: TdmData
  OldCreateOrder = False
  Left = 200
  Top = 120
  Height = 150
  Width = 215
  object dbShop: TDatabase
    DatabaseName = 'SHOP'
    DriverName = 'INTRBASE'
    LoginPrompt = False
    SessionName = 'Default'
    Left = 24
    Top = 16
  end
  object qryItems: TQuery
    DatabaseName = 'SHOP'
    SQL.Strings = (
      'select * from ITEMS')
    Left = 88
    Top = 16
  end
  object tblCustomer: TTable
    DatabaseName = 'DBDEMOS'
    TableName = 'customer'
    Left = 152
    Top = 16
  end
end
