object frmReports: TfrmReports
  Left = 120
  Top = 120
  Caption = 'Reports'
  ClientHeight = 300
  ClientWidth = 400
    object dbRemote: TNXConnection
    LoginPrompt = False
    Left = 16
    Top = 16
  end
  object qryTotals: TNXQuery
    Connection = dbRemote
    SQL.Strings = (
            'select sum(AMOUNT) from ITEMS')
    Left = 48
    Top = 16
  end
  object qryReport: TNXQuery
    Connection = dmNxConnections.conLEDGER
    SQL.Strings = (
            'select * from CUSTOMERS')
    Left = 80
    Top = 16
  end
  object qryMisc: TNXQuery
    Connection = dbRemote
    SQL.Strings = (
            'select 1 from RDB$DATABASE')
    Left = 112
    Top = 16
  end
  object qryScratch: TNXQuery
    SQL.Strings = (
            'select * from TEMP')
    Left = 144
    Top = 16
  end
end
