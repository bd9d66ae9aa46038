object frmBase: TfrmBase
  object tblBase: TTable
    TableName = 'ITEMS'
    FieldDefs = <
      item
        Name = 'ID'
        DataType = ftInteger
      end>
    StoreDefs = True
  end
  object lkBase: TMyLookup
    Caption = 'Items'
  end
end
