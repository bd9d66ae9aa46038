object frmBase: TfrmBase
  object tblBase: TTable
    TableName = 'ITEMS'
  end
  object lkBase: TMyLookup
    Caption = 'Items'
  end
end
