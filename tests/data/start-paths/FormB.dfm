object frmB: TfrmB
  Caption = 'Archive'
  object tblArchive: TTable
    DatabaseName = 'ArchiveDB'
    TableName = 'ARCHIVE'
    Left = 16
    Top = 16
  end
end
