object dmData: TdmData
  object dbMain: TDatabase
    AliasName = 'ORDERS'
    DatabaseName = 'MainDB'
  end
  object qryList: TQuery
    DatabaseName = 'NOPE'
  end
  object tblItems: TTable
    DatabaseName = 'MainDB'
    TableType = ttParadox
    TableLevel = 4
  end
  object tblBroken: TTable
    Tag = @
  end
  object lkItems: TMyLookup
    LookupTable = tblItems
    DataSource = dsItems
    ItemDataSet = qryList
  end
  object rptItems: TMyReport
    DatabaseName = 'MainDB'
  end
  object tblArchive: TTable
    DatabaseName = 'MainDB'
    TableName = 'C:\Data\Archive.DBF'
  end
end
