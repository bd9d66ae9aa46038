object frmMain: TfrmMain
  Left = 100
  Top = 100
  Caption = 'Ledger'
  ClientHeight = 300
  ClientWidth = 400
    object tblCustomers: TNXTable
    Connection = dmNxConnections.conLEDGER
    TableName = 'CUSTOMERS'
    Left = 16
    Top = 16
  end
  object qryOrders: TNXQuery
    Connection = dmNxConnections.conLEDGER
    SQL.Strings = (
            'select * from ORDERS')
    Left = 48
    Top = 16
  end
  object qryArchive: TNXQuery
    Connection = dmNxConnections.conOld_Archive
    SQL.Strings = (
            'select * from ORDERS_1999')
    Left = 80
    Top = 16
  end
end
