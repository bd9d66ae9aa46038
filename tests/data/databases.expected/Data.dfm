object dmData: TdmData
  OldCreateOrder = False
  Left = 200
  Top = 120
  Height = 150
  Width = 215
    object dbShop: TNXConnection
    LoginPrompt = False
    Left = 24
    Top = 16
  end
  object qryItems: TNXQuery
    Connection = dbShop
    SQL.Strings = (
            'select * from ITEMS')
    Left = 88
    Top = 16
  end
  object tblCustomer: TNXTable
    TableName = 'customer'
    Left = 152
    Top = 16
  end
end
