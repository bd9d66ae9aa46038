object dmHelper: TdmHelper
    object qryOrders: TNXQuery
    SQL.Strings = (
            'select * from Orders')
  end
end
