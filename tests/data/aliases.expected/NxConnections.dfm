object dmNxConnections: TdmNxConnections
  OldCreateOrder = False
  Height = 160
  Width = 215
  object conLEDGER: TNXConnection
    Database = 'ledger.nxdb'
    Server = 'localhost'
    Username = 'clerk'
    LoginPrompt = False
    Left = 48
    Top = 24
  end
  object conOld_Archive: TNXConnection
    Left = 48
    Top = 80
  end
end
