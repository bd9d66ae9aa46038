object dmOrders: TdmOrders
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Left = 285
  Top = 161
  Height = 300
  Width = 420
    object dbOrders: TNXConnection
    LoginPrompt = False
    Username = 'clerk'
    Password = 'secret'
    IsolationLevel = ilReadCommitted
    Left = 32
    Top = 16
  end
  object qryOrders: TNXQuery
    CachedUpdates = True
    Connection = dbOrders
    SQL.Strings = (
            'select ORDER_NO, CUSTOMER, ORDER_DATE'
            'from ORDERS'
            'where CUSTOMER = :Customer'
            'order by ORDER_NO')
    UpdateObject = updOrders
    Left = 112
    Top = 16
    ParamData = <
            item
              DataType = ftString
              Name = 'Customer'
              ParamType = ptInput
            end>
    object qryOrdersOrderNo: TIntegerField
      FieldName = 'ORDER_NO'
    end
    object qryOrdersCustomer: TStringField
      FieldName = 'CUSTOMER'
      Size = 40
    end
  end
  object tblCustomers: TNXTable
    Connection = dbOrders
    IndexFieldNames = 'NAME'
    TableName = 'CUSTOMERS'
    Left = 192
    Top = 16
  end
  object spNextOrderNo: TNXStoredProc
    Connection = dbOrders
    StoredProcName = 'NEXT_ORDER_NO'
    Left = 272
    Top = 16
  end
  object updOrders: TNXUpdateSQL
    ModifySQL.Strings = (
            'update ORDERS set CUSTOMER = :CUSTOMER'
            'where ORDER_NO = :OLD_ORDER_NO')
    Left = 112
    Top = 80
  end
object dsOrders: TDataSource
    DataSet = qryOrders
    Left = 192
    Top = 80
  end
end
