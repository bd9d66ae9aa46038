object frmMain: TfrmMain
  Caption = 'Books'
  object qryBooks: TQuery
    DatabaseName = 'BooksDB'
    SQL.Strings = (
      'select * from BOOKS')
    Left = 16
    Top = 16
  end
  object qryLoans: TQuery
    DatabaseName = 'LoansDB'
    SQL.Strings = (
      'select * from LOANS')
    Left = 48
    Top = 16
  end
end
