unit Child;
interface
uses Forms, Base;
type
  TfrmChild = class(TfrmBase)
    lkChild: TMyLookup;
  end;
implementation
{$R *.dfm}
end.
