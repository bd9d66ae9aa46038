inherited frmChild: TfrmChild
  inherited lkBase: TMyLookup
    LookupTable = tblBase
  end
  object lkChild: TMyLookup
    LookupTable = tblBase
    Caption = 'tblBase'
  end
end
