unit Plain;

interface

const
  Title = 'Orders';

implementation

end.
