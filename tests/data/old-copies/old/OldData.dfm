object dmOldData: TdmOldData
  OldCreateOrder = False
  object dbBooksOld: TDatabase
    DatabaseName = 'BooksDB'
    DriverName = 'STANDARD'
    Left = 16
    Top = 16
  end
  object dbLoans: TDatabase
    DatabaseName = 'LoansDB'
    DriverName = 'STANDARD'
    Left = 16
    Top = 72
  end
end
