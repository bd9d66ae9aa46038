object frmC: TfrmC
  Caption = 'Plain'
  object tblPlain: TTable
    DatabaseName = 'ArchiveDB'
    TableName = 'PLAIN'
    Left = 16
    Top = 16
  end
end
