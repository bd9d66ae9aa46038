object frmReports: TfrmReports
  Left = 120
  Top = 120
  Caption = 'Reports'
  ClientHeight = 300
  ClientWidth = 400
  object dbRemote: TDatabase
    DatabaseName = 'REMOTE'
    DriverName = 'INTRBASE'
    LoginPrompt = False
    SessionName = 'Default'
    Left = 16
    Top = 16
  end
  object qryTotals: TQuery
    DatabaseName = 'REMOTE'
    SQL.Strings = (
      'select sum(AMOUNT) from ITEMS')
    Left = 48
    Top = 16
  end
  object qryReport: TQuery
    DatabaseName = 'LEDGER'
    SQL.Strings = (
      'select * from CUSTOMERS')
    Left = 80
    Top = 16
  end
  object qryMisc: TQuery
    DatabaseName = 'MISC'
    SQL.Strings = (
      'select 1 from RDB$DATABASE')
    Left = 112
    Top = 16
  end
  object qryScratch: TQuery
    DatabaseName = 'SCRATCH'
    SQL.Strings = (
      'select * from TEMP')
    Left = 144
    Top = 16
  end
end
