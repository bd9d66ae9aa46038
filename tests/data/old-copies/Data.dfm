object dmData: TdmData
  OldCreateOrder = False
  object dbBooks: TDatabase
    DatabaseName = 'BooksDB'
    DriverName = 'STANDARD'
    Left = 16
    Top = 16
  end
end
