object dmHostile: TDataModule
  object qryDeep: TQuery
    SQL.Strings = (
      'select 1')
    object fld1: TStringField
      FieldName = 'F1'
      object fld2: TStringField
        FieldName = 'F2'
        object fld3: TStringField
          FieldName = 'F3'
          object fld4: TStringField
            FieldName = 'F4'
            object fld5: TStringField
              FieldName = 'F5'
              object fld6: TStringField
                FieldName = 'F6'
                object fld7: TStringField
                  FieldName = 'F7'
                  object fld8: TStringField
                    FieldName = 'F8'
                    object fld9: TStringField
                      FieldName = 'F9'
                      object fld10: TStringField
                        FieldName = 'F10'
                        object fld11: TStringField
                          FieldName = 'F11'
                          object fld12: TStringField
                            FieldName = 'F12'
                            object fld13: TStringField
                              FieldName = 'F13'
                              object fld14: TStringField
                                FieldName = 'F14'
                                object fld15: TStringField
                                  FieldName = 'F15'
                                  object fld16: TStringField
                                    FieldName = 'F16'
                                    object fld17: TStringField
                                      FieldName = 'F17'
                                      object fld18: TStringField
                                        FieldName = 'F18'
                                        object fld19: TStringField
                                          FieldName = 'F19'
                                          object fld20: TStringField
                                            FieldName = 'F20'
                                            object fld21: TStringField
                                              FieldName = 'F21'
                                              object fld22: TStringField
                                                FieldName = 'F22'
                                              end
                                            end
                                          end
                                        end
                                      end
                                    end
                                  end
                                end
                              end
                            end
                          end
                        end
                      end
                    end
                  end
                end
              end
            end
          end
        end
      end
    end
  end
end
