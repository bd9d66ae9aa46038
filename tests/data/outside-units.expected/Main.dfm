object frmMain: TfrmMain
  Left = 200
  Top = 120
  Caption = 'Orders'
  OnShow = FormShow
end
