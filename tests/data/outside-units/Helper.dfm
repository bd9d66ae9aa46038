object dmHelper: TdmHelper
  object qryOrders: TQuery
    DatabaseName = 'ORDERS'
    SQL.Strings = (
      'select * from Orders')
  end
end
