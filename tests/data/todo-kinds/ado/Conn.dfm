object dmConn: TdmConn
  object cnMain: TADOConnection
    ConnectionString = 'Provider=SQLOLEDB.1'
    CommandTimeout = 90
    LoginPrompt = False
    Provider = 'SQLOLEDB.1'
  end
  object qryOrders: TADOQuery
    Connection = cnMain
    CursorType = ctStatic
    Parameters = <
      item
        Name = 'ID'
        DataType = ftInteger
      end>
  end
  object qryAll: TADOQuery
    Connection = cnMain
    CommandTimeout = 0
    LockType = ltReadOnly
    Parameters = <>
  end
  object cnLog: TADOConnection
    IsolationLevel = ilReadCommitted
  end
  object cnOdd: TADOConnection
    IsolationLevel = ilChaos
  end
  object cnBrowse: TADOConnection
    IsolationLevel = ilBrowse
  end
end
