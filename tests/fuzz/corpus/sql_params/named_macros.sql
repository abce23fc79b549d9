select @cols%a,b from t /* :notaparam */ where s = ':notaparam' and @cond order by @@c%a@
====
name
id > 2
name desc
