object frmChild: TfrmChild
  Left = 150
  Top = 150
  Caption = 'Child'
  ClientHeight = 120
  ClientWidth = 200
  PixelsPerInch = 96
  TextHeight = 13
    object dbChild: TNXConnection
    Left = 16
    Top = 16
  end
  object qryChild: TNXQuery
    Connection = dbChild
    SQL.Strings = (
            'select * from NOTES')
    Left = 64
    Top = 16
  end
  object tblItems: TNXTable
    Connection = dmData.dbShop
    TableName = 'ITEMS'
    Left = 112
    Top = 16
  end
end
