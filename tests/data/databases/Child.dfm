object frmChild: TfrmChild
  Left = 150
  Top = 150
  Caption = 'Child'
  ClientHeight = 120
  ClientWidth = 200
  PixelsPerInch = 96
  TextHeight = 13
  object dbChild: TDatabase
    DatabaseName = 'CHILD'
    DriverName = 'STANDARD'
    HandleShared = True
    SessionName = 'Default'
    Left = 16
    Top = 16
  end
  object qryChild: TQuery
    DatabaseName = 'CHILD'
    SQL.Strings = (
      'select * from NOTES')
    Left = 64
    Top = 16
  end
  object tblItems: TTable
    DatabaseName = 'SHOP'
    TableName = 'ITEMS'
    Left = 112
    Top = 16
  end
end
