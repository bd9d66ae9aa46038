object dmCustomers: TdmCustomers
  Left = 200
  Top = 100
  object dbMain: TDatabase
    DatabaseName = 'ORDERS'
    SessionName = 'Default'
    Left = 20
    Top = 10
  end
  object qryOrders: TQuery
    DatabaseName = 'NOALIAS'
    RequestLive = True
    Left = 20
    Top = 60
  end
  object tblCustomers: TTable
    DatabaseName = 'ORDERS'
    SessionName = 'Reports'
    TableType = ttParadox
    TableName = 'CUSTOMER'
    Left = 20
    Top = 110
  end
  object tblBroken: TTable
    Tag = @
  end
  object cbCustomer: TwwDBLookupCombo
    LookupTable = tblCustomers
    DataSource = dsOrders
    Left = 80
  end
  object rptOrders: TCrpe
    DatabaseName = 'ORDERS'
    DataSet = qryOrders
  end
end
