unit List;
interface
uses Forms, ADODB;
type
  TfrmList = class(TForm)
    qryList: TADOQuery;
  end;
implementation
end.
