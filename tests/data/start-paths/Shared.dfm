object dmShared: TdmShared
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  object dbArchive: TDatabase
    DatabaseName = 'ArchiveDB'
    DriverName = 'STANDARD'
    SessionName = 'Default'
    Left = 16
    Top = 16
  end
end
