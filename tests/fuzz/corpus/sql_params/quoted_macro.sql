select a from t where n = @@v%#abc@ and id = :id or (id <> :id and p = ?"Name")
====
O'Brien
